#include "mapi/recipient_buffers.h"

#include "platform/lifetime/immortal.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace ob::mapi {
namespace {

struct LiveBlocks {
    std::mutex lock;
    std::unordered_set<void*> blocks;
};

LiveBlocks& Blocks() {
    static Immortal<LiveBlocks> blocks;
    return blocks.Get();
}

constexpr std::string_view kSmtp = "SMTP:";

char* CopyString(std::string_view text, char*& at) {
    char* start = at;
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    at += text.size() + 1;
    return start;
}

} // namespace

MapiRecipDesc* AllocateRecipients(const std::vector<Recipient>& recipients) {
    std::size_t size = recipients.size() * sizeof(MapiRecipDesc);
    for (const Recipient& recipient : recipients) {
        size += recipient.name.size() + 1 + kSmtp.size() + recipient.address.size() + 1;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        return nullptr;
    }
    auto* records = static_cast<MapiRecipDesc*>(block);
    char* strings = static_cast<char*>(block) + recipients.size() * sizeof(MapiRecipDesc);
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        MapiRecipDesc& record = records[i];
        record = MapiRecipDesc{};
        record.ulRecipClass = recipients[i].recipClass;
        record.lpszName = CopyString(recipients[i].name, strings);
        char* address = CopyString(std::string(kSmtp) + recipients[i].address, strings);
        record.lpszAddress = address;
    }
    try {
        std::lock_guard<std::mutex> guard(Blocks().lock);
        Blocks().blocks.insert(block);
    } catch (...) {
        std::free(block);
        return nullptr;
    }
    return records;
}

bool FreeRecipients(void* block) {
    {
        std::lock_guard<std::mutex> guard(Blocks().lock);
        if (block == nullptr || Blocks().blocks.erase(block) == 0) {
            return false;
        }
    }
    std::free(block);
    return true;
}

} // namespace ob::mapi
