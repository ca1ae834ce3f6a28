// Installer sessions: property tables shared by an installer and the setup
// extension, reached through handles.

#include "platform/installer/installer_session.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::installer {
namespace {

TEST(InstallerSession, PropertiesAreKeptPerSessionUntilItCloses) {
    const MsiHandle first = OpenSession();
    const MsiHandle second = OpenSession();
    ASSERT_NE(first, second);
    EXPECT_EQ(MsiSetProperty(first, "INSTALLDIR", "/etc/obrenta/jobs"), ERROR_SUCCESS);
    EXPECT_EQ(GetProperty(first, "INSTALLDIR"), "/etc/obrenta/jobs");
    EXPECT_EQ(GetProperty(first, "installdir"), "") << "names keep their case";
    EXPECT_EQ(GetProperty(second, "INSTALLDIR"), "");
    EXPECT_EQ(MsiSetProperty(first, "INSTALLDIR", ""), ERROR_SUCCESS);
    EXPECT_EQ(GetProperty(first, "INSTALLDIR"), "") << "an empty value removes it";

    EXPECT_TRUE(CloseSession(first));
    EXPECT_FALSE(CloseSession(first));
    EXPECT_FALSE(GetProperty(first, "INSTALLDIR").has_value());
    EXPECT_EQ(MsiSetProperty(first, "A", "b"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiSetProperty(second, nullptr, "b"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiSetProperty(second, "", "b"), ERROR_INVALID_PARAMETER);
    CloseSession(second);
}

TEST(InstallerSession, GetPropertyReportsLengthsAndShortBuffers) {
    const MsiHandle session = OpenSession();
    MsiSetProperty(session, "InstallLocation", "/opt/obrenta");
    struct Case {
        std::uint32_t size;
        std::uint32_t result;
        std::string copied;
    };
    for (const Case& c :
         {Case{64, ERROR_SUCCESS, "/opt/obrenta"}, Case{13, ERROR_SUCCESS, "/opt/obrenta"},
          Case{12, ERROR_MORE_DATA, "/opt/obrent"}, Case{1, ERROR_MORE_DATA, ""}}) {
        char buffer[64] = "untouched";
        std::uint32_t length = c.size;
        EXPECT_EQ(MsiGetProperty(session, "InstallLocation", buffer, &length), c.result) << c.size;
        EXPECT_EQ(std::string(buffer), c.copied) << c.size;
        EXPECT_EQ(length, 12u) << "the value's full length, whatever the buffer";
    }
    std::uint32_t length = 0;
    EXPECT_EQ(MsiGetProperty(session, "InstallLocation", nullptr, &length), ERROR_MORE_DATA);
    EXPECT_EQ(length, 12u);
    length = 4;
    EXPECT_EQ(MsiGetProperty(session, "InstallLocation", nullptr, &length),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiGetProperty(session, nullptr, nullptr, &length), ERROR_INVALID_PARAMETER);
    char buffer[8];
    length = sizeof buffer;
    EXPECT_EQ(MsiGetProperty(session + 1000, "X", buffer, &length), ERROR_INVALID_HANDLE);
    CloseSession(session);
}

} // namespace
} // namespace ob::installer
