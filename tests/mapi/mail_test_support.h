// Test support for mail: settings of libobmapi in the (scratch) settings store, the
// sendmail stand-in (data/fake_sendmail.sh) and a reading of a recorded message by
// Python's email parser (data/read_message.py).
#pragma once

#include "obrenta/mapi.h"
#include "platform/env/environment.h"
#include "platform/registry/registry.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ob::test {

inline constexpr const char* kMapiSettingsKey = "Software\\Varndel Software\\Obrenta\\MAPI";
inline constexpr const char* kSystemPython = "/usr/bin/python3";

/// Writes a value of the library's settings key (or of a subkey of it).
inline void SetMapiValue(const std::string& name, const std::string& data,
                         const std::string& subkey = "",
                         registry::Root root = registry::Root::LocalMachine) {
    registry::Key key;
    const std::string path = subkey.empty() ? kMapiSettingsKey : kMapiSettingsKey + ("\\" + subkey);
    ASSERT_EQ(registry::Key::Create(root, path, registry::KEY_READ_WRITE, key),
              registry::ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue(name, data), registry::ERROR_SUCCESS);
}

/// A profile written straight into the store.
inline void WriteProfile(const std::string& name, const std::string& address,
                         const std::string& displayName = "") {
    SetMapiValue("address", address, "Profiles\\" + name);
    SetMapiValue("name", displayName, "Profiles\\" + name);
}

/// The reason libobmapi gives for the calling thread's last failure (for tests that
/// link the library's code).
inline std::string MapiLastError() {
    std::string text(OB_MapiLastError(nullptr, 0) + 1, '\0');
    OB_MapiLastError(text.data(), static_cast<std::uint32_t>(text.size()));
    text.resize(text.size() - 1);
    return text;
}

inline std::string FakeSendmail() {
    return std::string(OB_MAIL_TEST_DATA) + "/fake_sendmail.sh";
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

/// Output of a command run by the shell (standard error included).
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
    }
    return output;
}

/// The SHA-256 of a file in hexadecimal (by sha256sum).
inline std::string Sha256Of(const std::string& path) {
    return CommandOutput("sha256sum '" + path + "'").substr(0, 64);
}

/// What Python's email parser makes of a message file (see data/read_message.py).
inline std::string ParseWithPython(const std::string& path) {
    return CommandOutput(std::string(kSystemPython) + " " + OB_MAIL_TEST_DATA +
                         "/read_message.py '" + path + "'");
}

/// The stand-in as the mail program, recording into the scratch folder, in `mode`.
class FakeSendmailSetup {
public:
    explicit FakeSendmailSetup(const ScratchDir& dir) : out_(dir / "message.eml") {
        UseScratchStores(dir);
        SetMapiValue("sendmail", FakeSendmail());
        env::Set("OB_FAKE_SENDMAIL_OUT", out_);
        Mode("ok");
    }
    void Mode(const std::string& mode) const { env::Set("OB_FAKE_SENDMAIL_MODE", mode); }
    const std::string& MessageFile() const { return out_; }
    std::string Arguments() const { return ReadFile(out_ + ".args"); }
    bool Delivered() const { return std::filesystem::exists(out_); }

private:
    std::string out_;
};

} // namespace ob::test
