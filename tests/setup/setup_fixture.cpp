#include "setup_fixture.h"

#include "platform/env/environment.h"
#include "setup/install_directory.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace ob::setup {

void SetupTest::SetUp() {
    test::UseScratchStores(dir_);
    jobs_ = dir_ / "jobs";
    std::filesystem::create_directories(jobs_);
    std::filesystem::create_directories(dir_ / "tmp");
    env::Set("TMPDIR", dir_ / "tmp");
    env::Set("OBRENTA_RUNTIME_DIR", dir_ / "run");
    RememberInstallDirectory(jobs_.c_str());
}

void SetupTest::TearDown() {
    RememberInstallDirectory(nullptr);
    env::Remove("TMPDIR");
    env::Remove("OBRENTA_RUNTIME_DIR");
}

void SetupTest::WriteFile(const std::string& path, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string SetupTest::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "(missing)";
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string SetupTest::Log() const {
    static const std::regex kNumbers(R"(\(thread=[0-9]+\)\(line=[0-9]+\))");
    return std::regex_replace(ReadFile(InJobs("obrenta.log")), kNumbers, "");
}

void SetupTest::ClearLog() const {
    std::filesystem::remove(InJobs("obrenta.log"));
}

} // namespace ob::setup
