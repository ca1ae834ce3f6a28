#include "script_fixture.h"

#include "support/automation_library.h"

#include "engine/session/relay_window.h"
#include "engine/session/session_registry.h"
#include "vbscript/script_control.h"

namespace ob::test {

void ScriptTest::SetUp() {
    FlowTest::SetUp();
    std::string why;
    ASSERT_EQ(RegisterAutomationLibrary(OB_CORELIB_PATH, &why), 0) << why;
    // The fixture owns the session; the registry's reference must not free it.
    registered_ = std::shared_ptr<engine::EngineSession>(&session, [](engine::EngineSession*) {});
    engine::RegisterSession(registered_);
    ASSERT_NE(engine::CreateRelayWindow(session), 0u);
    session.script = vbscript::CreateScriptControl("VBScript");
    ASSERT_NE(session.script, nullptr);
}

void ScriptTest::TearDown() {
    session.script.reset();
    engine::DestroyRelayWindow(session);
    engine::UnregisterSession(engine::HandleOf(session));
    FlowTest::TearDown();
}

engine::RunResult ScriptTest::LoadAndRun(const std::string& script) {
    Reset();
    Load(script);
    return Run("main");
}

} // namespace ob::test
