// The automation library from the command line: `obrenta register`, the
// registration `obrenta run` makes when none works, variables that scripts keep
// across a restart, and the worked example of the VBScript manual.

#include "obrenta_program.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace ob::test {
namespace {

const char* kRuntimeClass = "HKCR\\OBCoreLib.Runtime\\CLSID";

TEST(AutomationProgram, RegisterAndUnregisterTheInstalledLibrary) {
    ScratchDir dir;
    Program obrenta(dir);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* printed; ///< the start of what goes to standard output or error
    };
    const std::vector<Case> cases = {
        {{"register"}, 0, "Registered /"},
        {{"register", "--unregister"}, 0, "Unregistered /"},
        {{"register", "/no/such/libobcorelib.so"}, 1, "obrenta: no library /no/such"},
        {{"register", "/etc/hostname"}, 1, "obrenta: cannot load /etc/hostname"},
        {{"register", "a.so", "b.so"}, 2, "usage: obrenta register"},
        {{"register", "--all"}, 2, "obrenta: unknown option --all"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = obrenta.Run(c.args);
        EXPECT_EQ(outcome.status, c.status) << c.args.back() << outcome.err;
        EXPECT_EQ((c.status == 0 ? outcome.out : outcome.err).rfind(c.printed, 0), 0u)
            << outcome.out << outcome.err;
    }
    ASSERT_EQ(obrenta.Run({"register"}).status, 0);
    EXPECT_EQ(obrenta.Run({"reg", "query", kRuntimeClass}).out,
              "(Default) = {4DEB02CF-9383-4859-B7A4-F405E5467DB7}\n");

    const Outcome readOnly = obrenta.Run({"register"}, nullptr, {"OBRENTA_MACHINE_READONLY=1"});
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_NE(readOnly.err.find("is not writable"), std::string::npos) << readOnly.err;
}

TEST(AutomationProgram, RunRegistersTheLibraryWhenNoEntryWorks) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const Outcome first = obrenta.Run({"run", "--seconds", "0"});
    EXPECT_NE(first.err.find("obrenta: registered the automation library /"), std::string::npos)
        << first.err;
    EXPECT_EQ(obrenta.Run({"reg", "query", kRuntimeClass}).status, 0);
    const Outcome second = obrenta.Run({"run", "--seconds", "0"});
    EXPECT_EQ(second.err.find("registered the automation library"), std::string::npos)
        << "a working entry is left alone";

    // An entry naming a library that is gone is replaced.
    obrenta.Run({"reg", "add",
                 "HKCR\\CLSID\\{4DEB02CF-9383-4859-B7A4-F405E5467DB7}\\InprocServer32", "",
                 "/gone/libobcorelib.so"});
    const Outcome third = obrenta.Run({"run", "--seconds", "0"});
    EXPECT_NE(third.err.find("registered the automation library"), std::string::npos);
}

TEST(AutomationProgram, PersistentAndProtectedVariablesSurviveARestart) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string writer = dir / "write.jr";
    std::ofstream(writer)
        << "{\n-name main\n-start\n-stop\n"
           "-action SetEnvironmentVariable(ENV_PERSISTENT Or ENV_CRYPTO, \"OB_SECRET\", "
           "\"s3cret\")\n"
           "-action SetEnvironmentVariable(ENV_PERSISTENT, \"OB_PLAIN\", \"plain text\")\n}\n";
    const std::string reader = dir / "read.jr";
    std::ofstream(reader)
        << "{\n-name main\n-start\n-stop\n"
           "-action Print(GetEnvironmentVariable(ENV_PERSISTENT Or ENV_CRYPTO, \"OB_SECRET\"))\n"
           "-action Print(GetEnvironmentVariable(ENV_PERSISTENT, \"OB_PLAIN\"))\n"
           "-action Print(Len(GetEnvironmentVariable(ENV_PERSISTENT, \"OB_SECRET\")))\n}\n";
    const Outcome wrote = obrenta.Run({"run", "--exit-when-idle", writer});
    ASSERT_EQ(wrote.status, 0) << wrote.err;
    const Outcome read = obrenta.Run({"run", "--level", "20", "--exit-when-idle", reader});
    EXPECT_EQ(read.out, "Loading " + reader + ".\n1 jobs loaded.\ns3cret\nplain text\n16\n")
        << read.err;
    const Outcome stored = obrenta.Run(
        {"reg", "query", "HKLM\\Software\\Varndel Software\\Obrenta\\JR.ENVIRONMENT", "OB_SECRET"});
    EXPECT_EQ(stored.out.find("s3cret"), std::string::npos) << stored.out;
}

TEST(AutomationProgram, TheManualsWorkedExampleRuns) {
    ScratchDir dir;
    Program obrenta(dir);
    obrenta.Run({"reg", "add", kPortKey, "cs_port", "0"});
    const std::string example = std::string(OB_SOURCE_DIR) + "/examples/vbscript_functions.jr";
    const Outcome run = obrenta.Run({"run", "--level", "20", "--exit-when-idle", example});
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> expected = {"The folder /etc holds ", "Files counted: ",
                                         "Too many files: ", "The handler ran; the job goes on.",
                                         "Done; stopping the job."};
    std::size_t at = 0;
    for (const std::string& piece : expected) {
        at = run.out.find(piece, at);
        ASSERT_NE(at, std::string::npos) << piece << " missing in order from:\n" << run.out;
    }
    EXPECT_EQ(run.out.find("not reached"), std::string::npos);
}

} // namespace
} // namespace ob::test
