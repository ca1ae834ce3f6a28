// The variable exports as a host or service calls them.

#include "test_host.h"

#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <fstream>

namespace ob::test {
namespace {

std::string Take(char* value) {
    std::string copy = value != nullptr ? value : "(null)";
    OB_ReleaseEnvString(value);
    return copy;
}

TEST(VariableExports, PersistentWriteAndProfileRead) {
    ScratchDir dir;
    UseScratchStores(dir);
    env::Remove("OBX_COLOUR");
    EXPECT_EQ(OB_WriteProfileString("Paint", "OBX_COLOUR", "blue"), 1u);
    EXPECT_EQ(Take(OB_GetEnv("Paint", "OBX_COLOUR", ENV_TRANSIENT)), "blue");
    env::Set("OBX_COLOUR", "red");
    EXPECT_EQ(Take(OB_GetEnv("Paint", "OBX_COLOUR", ENV_PERSISTENT)), "red");
    EXPECT_EQ(Take(OB_GetProfileString("Paint", "OBX_COLOUR")), "blue")
        << "the profile read ignores the environment";
    EXPECT_EQ(Take(OB_GetEnv("Paint", "OBX_COLOUR", ENV_TRANSIENT)), "blue") << "and refreshes it";
    EXPECT_EQ(OB_GetEnv(nullptr, nullptr, ENV_TRANSIENT), nullptr);
    OB_ReleaseEnvString(nullptr);
}

TEST(VariableExports, WriteProfileStringReportsAFailedWriteAsZero) {
    ScratchDir dir;
    UseScratchStores(dir, true);
    // The user store's directory cannot be created: its place is taken by a file.
    std::ofstream(dir / "blocked") << "x";
    env::Set("OBRENTA_USER_DIR", dir / "blocked");
    registry::ResetConnections();
    EXPECT_EQ(OB_WriteProfileString("Paint", "OBX_SHADE", "dark"), 0u);
    EXPECT_EQ(OB_PutEnv("Paint", "OBX_SHADE", "dark", ENV_PERSISTENT), -1);
    EXPECT_EQ(Take(OB_GetEnv(nullptr, "OBX_SHADE", ENV_TRANSIENT)), "dark")
        << "the environment is set all the same";
}

TEST(VariableExports, GeneralErrorSetsTheLastErrorAndAlwaysSucceeds) {
    EXPECT_EQ(OB_GeneralError("Disk on fire."), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(Take(OB_GetEnv(nullptr, "JR.LAST_ERROR", ENV_TRANSIENT)), "Disk on fire.");
    EXPECT_EQ(OB_GeneralError(nullptr), static_cast<std::uint32_t>(OB_OK));
    EXPECT_EQ(OB_GetEnv(nullptr, "JR.LAST_ERROR", ENV_TRANSIENT), nullptr);
}

} // namespace
} // namespace ob::test
