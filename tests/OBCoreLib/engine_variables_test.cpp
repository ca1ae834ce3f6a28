// Engine variables through the runtime object, and ENV_CRYPTO values: encrypted in
// the store, read back whole, tied to the installation's key text.

#include "OBCoreLib/runtime/engine_variables.h"
#include "OBCoreLib/runtime/installation_key.h"
#include "OBCoreLib/runtime/value_cipher.h"

#include "platform/env/environment.h"
#include "platform/registry/registry.h"
#include "support/scratch.h"
#include "variables/variable_manager.h"

#include <gtest/gtest.h>

namespace ob::corelib {
namespace {

constexpr std::uint32_t kTransient = 1;
constexpr std::uint32_t kPersistent = 2;
constexpr std::uint32_t kCrypto = 8;

class EngineVariables : public ::testing::Test {
protected:
    void SetUp() override { test::UseScratchStores(dir_); }
    static std::optional<std::string> Stored(const char* name) {
        registry::Key key;
        std::string value;
        if (registry::Key::Open(registry::Root::LocalMachine,
                                "software\\Varndel Software\\Obrenta\\JR.ENVIRONMENT",
                                registry::KEY_READ, key) != 0 ||
            key.QueryValue(name, value) != 0) {
            return std::nullopt;
        }
        return value;
    }
    test::ScratchDir dir_;
};

TEST_F(EngineVariables, CryptoValuesAreStoredAsCipherAndReadBackWhole) {
    const std::vector<std::string> values = {"s", "exactly8", "pass word with blanks",
                                             "caf\xC3\xA9 \xE2\x82\xAC", std::string(600, 'k')};
    for (const std::string& value : values) {
        ASSERT_EQ(SetEngineVariable(kPersistent | kCrypto, "OB_SECRET", value).value, -1);
        const auto stored = Stored("OB_SECRET");
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->size() % 16, 0u);
        EXPECT_EQ(stored->find(value), std::string::npos) << "the plain text is not stored";
        EXPECT_EQ(stored->find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(env::Get("OB_SECRET"), stored) << "the environment holds the cipher too";
        EXPECT_EQ(GetEngineVariable(kPersistent | kCrypto, "OB_SECRET").value, value);
        env::Remove("OB_SECRET");
        EXPECT_EQ(GetEngineVariable(kPersistent | kCrypto, "OB_SECRET").value, value)
            << "read back from the store";
    }
}

TEST_F(EngineVariables, EmptyValuesDeleteAndMissingValuesReadEmpty) {
    ASSERT_EQ(SetEngineVariable(kPersistent, "OB_PLAIN", "kept").value, -1);
    EXPECT_EQ(Stored("OB_PLAIN"), "kept");
    EXPECT_EQ(SetEngineVariable(kPersistent | kCrypto, "OB_PLAIN", "").value, -1);
    EXPECT_FALSE(Stored("OB_PLAIN"));
    EXPECT_FALSE(env::Get("OB_PLAIN"));
    EXPECT_EQ(GetEngineVariable(kTransient, "OB_PLAIN").value, "");
    EXPECT_EQ(GetEngineVariable(kTransient | kCrypto, "OB_PLAIN").value, "");
}

TEST_F(EngineVariables, AValueTheStoreRefusesIsAFailure) {
    // A persistent value longer than the store keeps (2047) is refused.
    const I4Result result = SetEngineVariable(kPersistent, "OB_LONG", std::string(3000, 'x'));
    EXPECT_EQ(result.status, HResult::False);
    EXPECT_EQ(result.value, 0);
}

TEST_F(EngineVariables, APlainValueUnderTheCryptoFlagReadsEmpty) {
    env::Set("OB_NOT_CIPHER", "plain text");
    EXPECT_EQ(GetEngineVariable(kTransient | kCrypto, "OB_NOT_CIPHER").value, "");
    EXPECT_EQ(GetEngineVariable(kTransient, "OB_NOT_CIPHER").value, "plain text");
}

TEST_F(EngineVariables, TheKeyTextIsMadeOnceAndTheUserStoreWins) {
    const auto first = InstallationKeyText();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 64u);
    EXPECT_EQ(InstallationKeyText(), first);
    registry::Key key;
    ASSERT_EQ(registry::Key::Create(registry::Root::CurrentUser,
                                    "software\\Varndel Software\\Obrenta", registry::KEY_WRITE,
                                    key),
              0);
    ASSERT_EQ(key.SetValue(kInstallationKeyValue, "user key"), 0);
    EXPECT_EQ(InstallationKeyText(), "user key");
}

TEST(ValueCipher, OnlyTheSameKeyTextDecryptsAndDamageIsDetected) {
    const auto cipher = EncryptValue("secret", "key one");
    ASSERT_TRUE(cipher);
    EXPECT_EQ(EncryptValue("secret", "key one"), cipher) << "deterministic";
    EXPECT_NE(EncryptValue("secret", "key two"), cipher);
    EXPECT_EQ(DecryptValue(*cipher, "key one"), "secret");
    EXPECT_EQ(EncryptValue("", "key one"), "");
    EXPECT_EQ(DecryptValue("", "key one"), "");
    const std::vector<std::string> damaged = {cipher->substr(1), *cipher + "0", "ZZ" + *cipher,
                                              std::string(16, 'G')};
    for (const std::string& text : damaged) {
        EXPECT_FALSE(DecryptValue(text, "key one")) << text;
    }
    const auto wrong = DecryptValue(*cipher, "key two");
    EXPECT_NE(wrong, std::optional<std::string>("secret"));
}

} // namespace
} // namespace ob::corelib
