#include "parser_fixture.h"

#include "engine/loading/line_reader.h"
#include "engine/session/event_poster.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"

namespace ob::test {

void ParserTest::SetUp() {
    UseScratchStores(dir_);
    env::Set("JR.OUTPUT_LEVEL", "40"); // bit 64: obsolete-syntax messages
    window_ = msg::CreateWindow("STATIC", "parser host");
    ASSERT_NE(window_, 0u);
    session.hostWindow = window_;
    session.creatorThreadId = msg::GetCurrentThreadId();
    context.fileName = "test.jr";
    context.scriptText = std::make_shared<const std::string>("' script\n");
}

void ParserTest::TearDown() {
    Lines(); // releases whatever is still queued
    msg::DestroyWindow(window_);
}

bool ParserTest::Load(std::string_view jobText, std::uint32_t loaderFlags) {
    context.loaderFlags = loaderFlags;
    engine::LineReader reader(jobText);
    while (!reader.AtEnd()) {
        if (!engine::ParseOneJob(session, context, reader)) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<engine::Job> ParserTest::NewJob() const {
    return std::make_unique<engine::Job>(datetime::OleDate::Now());
}

engine::ParseResult ParserTest::Parse(engine::Job& job, std::string_view text) {
    return engine::ParseStatement(session, job, 1, text);
}

std::vector<engine::Statement*> ParserTest::OfKind(const engine::Job& job, std::uint32_t kind) {
    std::vector<engine::Statement*> found;
    for (const auto& statement : job.Statements()) {
        if (statement->Kind() == kind) {
            found.push_back(statement.get());
        }
    }
    return found;
}

} // namespace ob::test
