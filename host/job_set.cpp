#include "host/job_set.h"

#include "host/host_session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace ob::host {

std::optional<std::vector<std::string>> JobFilesIn(const std::string& folder,
                                                   std::string& problem) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        problem = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::string> files;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            break;
        }
        const std::string name = entry->d_name;
        struct stat info {};
        if (name.size() > 3 && name[0] != '.' && name.ends_with(".jr") &&
            ::stat((prefix + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            files.push_back(prefix + name);
        }
    }
    const int listingError = errno;
    ::closedir(listing);
    if (listingError != 0) {
        problem = std::strerror(listingError);
        return std::nullopt;
    }
    std::sort(files.begin(), files.end());
    return files;
}

JobSet::JobSet(std::vector<std::string> files, std::optional<std::string> folder)
    : files_(std::move(files)), folder_(std::move(folder)) {}

std::optional<std::vector<std::string>> JobSet::Files(std::ostream& err) const {
    std::vector<std::string> all;
    if (folder_) {
        std::string problem;
        auto inFolder = JobFilesIn(*folder_, problem);
        if (!inFolder) {
            err << "obrenta: cannot read the job folder " << *folder_ << ": " << problem << "\n";
            return std::nullopt;
        }
        all = std::move(*inFolder);
    }
    all.insert(all.end(), files_.begin(), files_.end());
    return all;
}

LoadReport JobSet::Load(HostSession& host, const std::vector<std::string>& files,
                        std::ostream& err) {
    LoadReport report;
    for (const std::string& file : files) {
        ++report.files;
        if (!host.Load(file)) {
            report.failed.push_back(file);
            err << "obrenta: " << file << " did not load whole; the jobs before its error stay\n";
        }
    }
    return report;
}

std::string JobSet::Summary(const LoadReport& report) {
    std::string text = std::to_string(report.files) + " job files read";
    if (!report.failed.empty()) {
        text += ", " + std::to_string(report.failed.size()) + " failed:";
        for (const std::string& file : report.failed) {
            text += " " + file;
        }
    }
    return text;
}

} // namespace ob::host
