#include "platform/env/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using ob::env::Block;
using ob::env::Get;
using ob::env::Remove;
using ob::env::Set;
using ob::env::Snapshot;

// Removes the test's variables (whatever their spelling) when the test ends.
class EnvironmentTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& name : names_) {
            Remove(name);
        }
    }
    std::string Name(const std::string& suffix) {
        names_.push_back("OBTEST_" + suffix);
        return names_.back();
    }

    // The names and values of the snapshot that start with the test prefix
    // (compared without case), in order.
    static std::vector<std::pair<std::string, std::string>> Ours() {
        std::vector<std::pair<std::string, std::string>> ours;
        for (auto& entry : Snapshot()) {
            std::string upper = entry.first;
            std::transform(upper.begin(), upper.end(), upper.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            if (upper.rfind("OBTEST_", 0) == 0) {
                ours.push_back(entry);
            }
        }
        return ours;
    }

    std::vector<std::string> names_;
};

TEST_F(EnvironmentTest, NamesIgnoreCaseAndKeepTheFirstSpelling) {
    const std::string name = Name("Mixed_Case");
    ASSERT_TRUE(Set(name, "one"));
    EXPECT_EQ(Get("obtest_mixed_case"), "one");
    EXPECT_EQ(Get("OBTEST_MIXED_CASE"), "one");

    // A write through another spelling changes the value, not the name.
    ASSERT_TRUE(Set("OBTEST_MIXED_CASE", "two"));
    auto ours = Ours();
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0].first, "OBTEST_Mixed_Case");
    EXPECT_EQ(ours[0].second, "two");

    // Once removed, the next definition brings its own spelling.
    ASSERT_TRUE(Remove("obtest_MIXED_case"));
    EXPECT_FALSE(Get(name).has_value());
    ASSERT_TRUE(Set("obtest_mixed_case", "three"));
    ours = Ours();
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0].first, "obtest_mixed_case");
}

TEST_F(EnvironmentTest, OnlyAsciiLettersFoldCase) {
    // Bytes outside ASCII compare as they are: these are two variables.
    const std::string lower = Name("\xC3\xA9"); // é
    const std::string upper = Name("\xC3\x89"); // É
    ASSERT_TRUE(Set(lower, "lower"));
    ASSERT_TRUE(Set(upper, "upper"));
    EXPECT_EQ(Get(lower), "lower");
    EXPECT_EQ(Get(upper), "upper");
}

TEST_F(EnvironmentTest, InvalidNamesAreRefused) {
    const std::vector<std::string> invalid = {
        "", "A=B", "OBTEST_X=", std::string("OBTEST_\0NUL", 11), "OBTEST=="};
    for (const std::string& name : invalid) {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_FALSE(Set(name, "value"));
        EXPECT_FALSE(Get(name).has_value());
        EXPECT_FALSE(Remove(name));
    }
}

TEST_F(EnvironmentTest, LeadingEqualsSignIsPartOfTheName) {
    const std::string name = "=OBTEST_DRIVE:";
    names_.push_back(name);
    ASSERT_TRUE(Set(name, "C:\\work"));
    EXPECT_EQ(Get("=obtest_drive:"), "C:\\work");
    const auto block = Block();
    EXPECT_NE(std::find(block.begin(), block.end(), "=OBTEST_DRIVE:=C:\\work"), block.end());
}

TEST_F(EnvironmentTest, EmptyValueIsAValueAndRemoveOfMissingNameSucceeds) {
    const std::string name = Name("EMPTY");
    ASSERT_TRUE(Set(name, ""));
    ASSERT_TRUE(Get(name).has_value());
    EXPECT_EQ(*Get(name), "");
    EXPECT_TRUE(Remove(name));
    EXPECT_TRUE(Remove(name));
    EXPECT_FALSE(Get(name).has_value());
}

TEST_F(EnvironmentTest, ValueEndsAtItsFirstNul) {
    const std::string name = Name("NUL_VALUE");
    ASSERT_TRUE(Set(name, std::string("before\0after", 12)));
    EXPECT_EQ(Get(name), "before");
}

TEST_F(EnvironmentTest, SnapshotAndBlockFollowDefinitionOrder) {
    const std::string a = Name("ORDER_A");
    const std::string b = Name("ORDER_B");
    const std::string c = Name("ORDER_C");
    ASSERT_TRUE(Set(a, "1"));
    ASSERT_TRUE(Set(b, "2"));
    ASSERT_TRUE(Set(c, "3"));
    ASSERT_TRUE(Set(b, "22")); // an update keeps its place
    ASSERT_TRUE(Remove(a));
    ASSERT_TRUE(Set(a, "11")); // a new definition goes last

    const std::vector<std::pair<std::string, std::string>> expected = {
        {b, "22"}, {c, "3"}, {a, "11"}};
    EXPECT_EQ(Ours(), expected);

    std::vector<std::string> ourBlock;
    for (const std::string& entry : Block()) {
        if (entry.rfind("OBTEST_ORDER_", 0) == 0) {
            ourBlock.push_back(entry);
        }
    }
    EXPECT_EQ(ourBlock, (std::vector<std::string>{b + "=22", c + "=3", a + "=11"}));
    EXPECT_EQ(Block().size(), Snapshot().size());
}

TEST_F(EnvironmentTest, RealEnvironmentIsNeverWritten) {
    const std::string name = Name("NOT_IN_LIBC");
    ASSERT_TRUE(Set(name, "x"));
    EXPECT_EQ(std::getenv(name.c_str()), nullptr);

    // Removing an imported variable leaves libc's copy alone too.
    const char* path = std::getenv("PATH");
    ASSERT_NE(path, nullptr);
    const std::string savedPath = path;
    ASSERT_TRUE(Remove("PATH"));
    EXPECT_FALSE(Get("PATH").has_value());
    ASSERT_NE(std::getenv("PATH"), nullptr);
    EXPECT_EQ(std::string(std::getenv("PATH")), savedPath);
    Set("PATH", savedPath);
}

TEST_F(EnvironmentTest, LockIsRecursiveAndSharedWithTheCalls) {
    const std::string name = Name("LOCKED");
    std::lock_guard outer(ob::env::Lock());
    std::lock_guard inner(ob::env::Lock());
    ASSERT_TRUE(Set(name, "held"));
    EXPECT_EQ(Get(name), "held");
}

} // namespace
