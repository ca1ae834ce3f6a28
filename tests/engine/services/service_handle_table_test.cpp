// Handles of service objects: table ids, never addresses.
#include "engine/services/service_handle_table.h"

#include "platform/env/environment.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ob::test {
namespace {

class Counted : public engine::ServiceObject {
public:
    explicit Counted(int& alive) : alive_(alive) { ++alive_; }
    ~Counted() override { --alive_; }

private:
    int& alive_;
};

TEST(ServiceHandleTable, HandlesNameLiveObjectsOnly) {
    engine::ServiceHandleTable table;
    int alive = 0;
    auto object = std::make_shared<Counted>(alive);
    engine::ServiceObject* raw = object.get();
    const std::string handle = table.Add(std::move(object));
    EXPECT_EQ(handle, "1");
    EXPECT_EQ(table.Find(handle).get(), raw);
    const std::string second = table.Add(std::make_shared<Counted>(alive));
    EXPECT_EQ(second, "2");
    EXPECT_EQ(alive, 2);

    EXPECT_TRUE(table.Remove(handle));
    EXPECT_EQ(alive, 1) << "removing the last holder frees the object";
    EXPECT_EQ(table.Find(handle), nullptr) << "a removed handle stays bad";
    EXPECT_FALSE(table.Remove(handle));
    EXPECT_NE(table.Add(std::make_shared<Counted>(alive)), handle) << "ids are not reused";
    EXPECT_EQ(table.Size(), 2u);
}

TEST(ServiceHandleTable, AnObjectFoundOutlivesItsRemoval) {
    engine::ServiceHandleTable table;
    int alive = 0;
    const std::string handle = table.Add(std::make_shared<Counted>(alive));
    auto held = table.Find(handle);
    table.Remove(handle);
    EXPECT_EQ(alive, 1);
    held.reset();
    EXPECT_EQ(alive, 0);
}

TEST(ServiceHandleTable, ForgedAndMalformedTextsAreBadHandles) {
    engine::ServiceHandleTable table;
    int alive = 0;
    engine::ServiceObject* raw = nullptr;
    {
        auto object = std::make_shared<Counted>(alive);
        raw = object.get();
        table.Add(std::move(object));
    }
    char address[32];
    std::snprintf(address, sizeof address, "%lx", reinterpret_cast<unsigned long>(raw));
    const std::vector<std::string> bad = {
        "",      "0", "00", "2", "ffffffff", "-1", " 1", "1 ", "0x1", "g", "12345678901234567",
        address, // the object's address is not its handle
    };
    for (const std::string& text : bad) {
        EXPECT_EQ(table.Find(text), nullptr) << "'" << text << "'";
    }
    EXPECT_NE(table.Find("1"), nullptr);
    EXPECT_NE(table.Find("01"), nullptr) << "leading zeros parse to the same id";
}

TEST(ServiceHandleTable, HandleTextsRoundTrip) {
    EXPECT_EQ(engine::ServiceHandleTable::FormatHandle(0xabcdef), "abcdef");
    EXPECT_EQ(engine::ServiceHandleTable::ParseHandle("abcdef"), 0xabcdefu);
    EXPECT_EQ(engine::ServiceHandleTable::ParseHandle("ABCDEF"), 0xabcdefu);
    EXPECT_EQ(engine::ServiceHandleTable::ParseHandle("ffffffffffffffff"), 0xffffffffffffffffu);
}

TEST(ServiceHandleTable, FromVariableReadsTheHandleText) {
    ScratchDir dir;
    UseScratchStores(dir);
    engine::ServiceHandleTable table;
    int alive = 0;
    const std::string handle = table.Add(std::make_shared<Counted>(alive));
    env::Set("H", handle);
    EXPECT_NE(table.FromVariable("H"), nullptr);
    env::Remove("H");
    EXPECT_EQ(table.FromVariable("H"), nullptr) << "a missing variable is a bad handle";
    env::Set("H", "not a handle");
    EXPECT_EQ(table.FromVariable("H"), nullptr);
    EXPECT_EQ(table.FromVariable(""), nullptr);
    EXPECT_EQ(table.FromVariable(nullptr), nullptr);
}

} // namespace
} // namespace ob::test
