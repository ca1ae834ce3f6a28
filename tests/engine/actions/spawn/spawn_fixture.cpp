#include "spawn_fixture.h"

#include "engine/actions/action_context.h"
#include "engine/actions/statement_executor.h"
#include "engine/expansion/argument_tokeniser.h"
#include "engine/jobs/action_statement.h"
#include "engine/session/event_poster.h"
#include "obrenta/obrenta.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "support/host_events.h"
#include "variables/variable_manager.h"

namespace ob::test {

void SpawnTest::SetUp() {
    ASSERT_FALSE(dir_.Path().empty());
    UseScratchStores(dir_);
    path_ = env::Get("PATH");
    env::Set("JR.OUTPUT_LEVEL", "0");
    env::Remove("JR.LAST_ERROR");
    env::Remove("JR.COMMAND_RETURN");
    job.SetVariable("$NAME=spawner");
    window_ = msg::CreateWindow("STATIC", "spawn directive host");
    ASSERT_NE(window_, 0u);
    session.hostWindow = window_;
    session.creatorThreadId = msg::GetCurrentThreadId();
    session.engineThreadId = session.creatorThreadId;
}

void SpawnTest::TearDown() {
    Take();
    msg::DestroyWindow(window_);
    if (path_) {
        env::Set("PATH", *path_);
    }
}

SpawnResult SpawnTest::Dispatch(const std::string& text) {
    engine::ActionStatement statement;
    statement.SetText(text);
    statement.line = 1;
    std::vector<std::string> words;
    engine::ArgumentTokeniser(text, engine::TOKENISE_EXPAND, words);
    engine::ActionContext context{session, nullptr, statement, job, words};
    const engine::Outcome outcome = engine::Dispatch(context);
    SpawnResult result = Take();
    result.outcome = outcome;
    return result;
}

engine::RunResult SpawnTest::Execute(const std::string& text) {
    engine::ActionStatement statement;
    statement.SetText(text);
    statement.line = 1;
    return engine::ExecuteStatement(session, nullptr, statement, job);
}

SpawnResult SpawnTest::Take() {
    const std::vector<HostEvent> events = TakeHostEvents();
    SpawnResult result;
    result.lines = OutputLines(events);
    result.launchFailures = CountEvents(events, OB_EV_NOTIFY, OB_NOTIFY_LAUNCH_FAILED);
    result.scriptErrors = CountEvents(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR);
    result.otherEvents = events.size() - CountEvents(events, OB_EV_TEXT) -
                         CountEvents(events, OB_EV_EOL) - result.launchFailures -
                         result.scriptErrors;
    return result;
}

std::optional<std::string> SpawnTest::Var(const std::string& name) {
    return vars::MainStore().Get(nullptr, name.c_str(), vars::ENV_TRANSIENT);
}

} // namespace ob::test
