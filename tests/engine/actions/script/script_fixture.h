// Fixture for script statements: the flow fixture's session (the test thread plays
// the engine thread) with what a started session has for scripts: a relay window,
// the session in the registry of live sessions (the relay window checks it) and a
// VBScript control; and the automation library registered in the scratch stores,
// so that the statements create the real OBCoreLib.Runtime.
#pragma once

#include "engine/actions/flow/flow_fixture.h"

#include <memory>

namespace ob::test {

class ScriptTest : public FlowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Loads `script` and runs its job "main"; the run result.
    engine::RunResult LoadAndRun(const std::string& script);

private:
    std::shared_ptr<engine::EngineSession> registered_;
};

} // namespace ob::test
