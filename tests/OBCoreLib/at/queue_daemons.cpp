#include "queue_daemons.h"

#include "OBCoreLib/at/at_service.h"
#include "OBCoreLib/at/cluster_settings.h"
#include "OBCoreLib/at/queue_tool.h"
#include "platform/env/environment.h"
#include "platform/process/resolve_program.h"
#include "platform/process/spawn_child.h"
#include "platform/registry/registry.h"
#include "platform/time/clock.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <netinet/in.h>
#include <pwd.h>
#include <random>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ob::test {
namespace {

namespace fs = std::filesystem;

void Stop(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
}

bool Missing(const std::vector<std::string>& tools, std::string& reason) {
    for (const std::string& tool : tools) {
        if (process::FindOnSearchPath(tool).empty()) {
            reason = tool + " is not installed";
            return true;
        }
    }
    return false;
}

pid_t SpawnDaemon(const std::vector<std::string>& arguments) {
    process::SpawnRequest request;
    request.path = process::FindOnSearchPath(arguments.front());
    request.arguments = arguments;
    request.environment = env::Block();
    pid_t pid = 0;
    return process::SpawnChild(request, pid) == 0 ? pid : 0;
}

bool OwnByDaemon(const std::string& path, mode_t mode) {
    const passwd* daemon = ::getpwnam("daemon");
    return daemon != nullptr && ::chown(path.c_str(), daemon->pw_uid, daemon->pw_gid) == 0 &&
           ::chmod(path.c_str(), mode) == 0;
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

} // namespace

bool WaitForFile(const std::string& path, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::unique_ptr<PrivateAtd> AtdTest::atd_;
std::string AtdTest::reason_;

void AtdTest::SetUpTestSuite() {
    atd_ = std::make_unique<PrivateAtd>();
    if (!atd_->Start(reason_)) {
        atd_.reset();
    }
}

void AtdTest::TearDownTestSuite() {
    atd_.reset();
}

void AtdTest::SetUp() {
    if (!atd_) {
        GTEST_SKIP() << reason_;
    }
    UseScratchStores(dir_);
}

void AtdTest::TearDown() {
    clock::SetTestClock(nullptr);
    std::vector<at::AtJobRecord> jobs;
    if (atd_ && at::ScheduleJobEnum(".", jobs).Ok() && !jobs.empty()) {
        (void)at::ScheduleJobDel(".", 0, std::numeric_limits<std::int32_t>::max());
    }
}

PrivateAtd::~PrivateAtd() {
    Stop(pid_);
}

bool PrivateAtd::Start(std::string& reason) {
    if (::geteuid() != 0) {
        reason = "a private atd needs root (mount namespace, spool owned by daemon)";
        return false;
    }
    if (Missing({"at", "atq", "atrm"}, reason) || !fs::exists("/usr/sbin/atd")) {
        reason = "Debian's at package is not installed (" + reason + ")";
        return false;
    }
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        reason = std::string("no private mount namespace: ") + std::strerror(errno);
        return false;
    }
    const std::string spool = "/var/spool/cron";
    fs::create_directories(spool);
    if (::mount("tmpfs", spool.c_str(), "tmpfs", 0, "mode=0755") != 0 ||
        ::mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0) {
        reason = std::string("cannot mount a private spool: ") + std::strerror(errno);
        return false;
    }
    for (const char* queue : {"/atjobs", "/atspool"}) {
        fs::create_directory(spool + queue);
        if (!OwnByDaemon(spool + queue, 01770)) {
            reason = "no daemon account for the at spool";
            return false;
        }
    }
    std::ofstream(spool + "/atjobs/.SEQ") << "0\n";
    if (!OwnByDaemon(spool + "/atjobs/.SEQ", 0600)) {
        reason = "cannot prepare the at sequence file";
        return false;
    }
    pid_ = SpawnDaemon({"/usr/sbin/atd", "-f"});
    if (pid_ == 0 || !WaitForFile("/run/atd.pid", 10)) {
        reason = "atd did not start";
        return false;
    }
    return true;
}

SlurmCluster::~SlurmCluster() {
    for (auto it = daemons_.rbegin(); it != daemons_.rend(); ++it) {
        Stop(*it);
    }
}

pid_t SlurmCluster::Spawn(const std::vector<std::string>& arguments) {
    const pid_t pid = SpawnDaemon(arguments);
    if (pid > 0) {
        daemons_.push_back(pid);
    }
    return pid;
}

std::string SlurmCluster::ConfAssignment() const {
    return "SLURM_CONF=" + (dir_ / "slurm.conf");
}

std::string SlurmCluster::LogTail() const {
    std::string tail;
    for (const char* log : {"log/slurmctld.log", "log/slurmd.log"}) {
        std::ifstream in(dir_ / log);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        tail += std::string(log) + ":\n" + text.substr(text.size() > 2000 ? text.size() - 2000 : 0);
    }
    return tail;
}

bool SlurmCluster::Start(std::string& reason) {
    if (::geteuid() != 0) {
        reason = "a Slurm cluster of one node needs root (slurmd starts jobs as their user)";
        return false;
    }
    if (Missing({"munged", "slurmctld", "slurmd", "sbatch", "squeue", "scancel", "sinfo"},
                reason)) {
        reason = "Debian's slurm-wlm and munge packages are not installed (" + reason + ")";
        return false;
    }
    const std::string munge = dir_ / "munge";
    fs::create_directories(munge);
    ::chmod(munge.c_str(), 0700);
    {
        std::ofstream key(munge + "/key", std::ios::binary);
        std::random_device random;
        for (int i = 0; i < 1024; ++i) {
            key.put(static_cast<char>(random()));
        }
    }
    ::chmod((munge + "/key").c_str(), 0400);
    if (Spawn({"munged", "-F", "-f", "--key-file=" + munge + "/key", "--socket=" + munge + "/sock",
               "--pid-file=" + munge + "/pid", "--log-file=" + munge + "/log",
               "--seed-file=" + munge + "/seed"}) == 0 ||
        !WaitForFile(munge + "/sock", 10)) {
        reason = "munged did not start";
        return false;
    }
    for (const char* folder : {"state", "spool", "log"}) {
        fs::create_directories(dir_.Path() / folder);
    }
    const std::string conf = dir_ / "slurm.conf";
    std::ofstream(conf) << "ClusterName=obtest\n"
                        << "SlurmctldHost=localhost(127.0.0.1)\n"
                        << "SlurmctldPort=" << FreePort() << "\n"
                        << "SlurmdPort=" << FreePort() << "\n"
                        << "AuthType=auth/munge\nCredType=cred/munge\n"
                        << "AuthInfo=socket=" << munge << "/sock\n"
                        << "SlurmUser=root\nSlurmdUser=root\n"
                        << "StateSaveLocation=" << (dir_ / "state") << "\n"
                        << "SlurmdSpoolDir=" << (dir_ / "spool") << "\n"
                        << "SlurmctldPidFile=" << (dir_ / "slurmctld.pid") << "\n"
                        << "SlurmdPidFile=" << (dir_ / "slurmd.pid") << "\n"
                        << "SlurmctldLogFile=" << (dir_ / "log/slurmctld.log") << "\n"
                        << "SlurmdLogFile=" << (dir_ / "log/slurmd.log") << "\n"
                        << "ProctrackType=proctrack/linuxproc\nTaskPlugin=task/none\n"
                        << "SchedulerType=sched/builtin\nSelectType=select/cons_tres\n"
                        // Jobs whose begin time comes are started within a second.
                        << "SchedulerParameters=sched_interval=1\n"
                        << "SelectTypeParameters=CR_Core\nReturnToService=2\nMpiDefault=none\n"
                        << "JobAcctGatherType=jobacct_gather/none\n"
                        << "AccountingStorageType=accounting_storage/none\n"
                        << "NodeName=obnode NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=2 "
                           "State=UNKNOWN\n"
                        << "PartitionName=" << kPartition
                        << " Nodes=obnode Default=YES MaxTime=INFINITE State=UP\n";
    if (Spawn({"slurmctld", "-D", "-i", "-f", conf}) == 0 ||
        Spawn({"slurmd", "-D", "-f", conf, "-N", "obnode"}) == 0) {
        reason = "slurmctld or slurmd did not start";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        const at::ToolRun state =
            at::RunQueueTool("sinfo", {"-h", "-o", "%T", "--partition=" + std::string(kPartition)},
                             {}, {ConfAssignment()});
        if (state.exitedZero && state.output.starts_with("idle")) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            reason = "the Slurm node did not become idle: " + state.output + state.failure;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    registry::Key key;
    if (registry::Key::Create(registry::Root::LocalMachine,
                              std::string(at::kClustersKey) + "\\" + kMachine,
                              registry::KEY_ALL_ACCESS, key) != registry::ERROR_SUCCESS ||
        key.SetValue("partition", kPartition) != registry::ERROR_SUCCESS ||
        key.SetValue("conf", conf) != registry::ERROR_SUCCESS) {
        reason = "cannot name the cluster in the settings store";
        return false;
    }
    return true;
}

} // namespace ob::test
