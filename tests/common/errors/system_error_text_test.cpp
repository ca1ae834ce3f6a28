#include "common/system_error_text.h"

#include "platform/error/win_error.h"

#include <gtest/gtest.h>

namespace {

using ob::common::SystemErrorText;

TEST(SystemErrorText, SystemTextWithoutLineBreak) {
    EXPECT_EQ(SystemErrorText(5), "Access is denied.");
    EXPECT_EQ(SystemErrorText(2), "The system cannot find the file specified.");
    EXPECT_EQ(SystemErrorText(10060),
              "A connection attempt failed because the connected party did not properly respond "
              "after a period of time, or established connection failed because connected host "
              "has failed to respond.");
}

TEST(SystemErrorText, UnknownCode) {
    EXPECT_EQ(SystemErrorText(9999), "Error Message not found.");
    EXPECT_EQ(SystemErrorText(0xFFFFFFFFu), "Error Message not found.");
}

bool TextWithTrailingBlanks(std::uint32_t, std::string& text, std::uint32_t*) {
    text = "Something failed.  \t\r\n\r\n";
    return true;
}
bool BlankText(std::uint32_t, std::string& text, std::uint32_t*) {
    text = " \r\n";
    return true;
}
bool NotFound(std::uint32_t, std::string&, std::uint32_t* lookupError) {
    *lookupError = ob::error::ERROR_MR_MID_NOT_FOUND;
    return false;
}
bool OutOfMemory(std::uint32_t, std::string&, std::uint32_t* lookupError) {
    *lookupError = ob::error::ERROR_NOT_ENOUGH_MEMORY;
    return false;
}
bool Throws(std::uint32_t, std::string&, std::uint32_t*) {
    throw std::bad_alloc();
}

TEST(SystemErrorText, LookupOutcomes) {
    EXPECT_EQ(SystemErrorText(1, &TextWithTrailingBlanks), "Something failed.");
    EXPECT_EQ(SystemErrorText(1, &BlankText), "");
    EXPECT_EQ(SystemErrorText(1, &NotFound), "Error Message not found.");
    EXPECT_EQ(SystemErrorText(1, &OutOfMemory), "FormatMessage failed with unknown error.");
    EXPECT_EQ(SystemErrorText(1, &Throws), "FormatMessage failed with unknown error.");
}

} // namespace
