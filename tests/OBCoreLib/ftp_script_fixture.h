// Fixture for the automation library's FTP classes as scripts meet them: a real
// VBScript control that holds an ftp object in `f` and a runtime object in `rt`
// (given to it as named objects, so that each test need not register the library;
// CreateObject through the class registry is the example test's), and a
// pyftpdlib server on loopback serving root/ of the scratch folder. Header only;
// the test's thread.
#pragma once

#include "OBCoreLib/ftp/ftp_object.h"
#include "OBCoreLib/runtime/runtime_object.h"
#include "ftp_test_server.h"
#include "support/scratch.h"

#include "platform/env/environment.h"
#include "vbscript/script_control.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ob::test {

class FtpScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseScratchStores(dir_);
        for (const char* name :
             {"FTP.REPLY_CODE", "FTP.LASTMSG", "FTP.LASTLINE", "FTP.WINSOCK", "JR.LAST_ERROR"}) {
            env::Remove(name);
        }
        std::filesystem::create_directories(Root());
        std::filesystem::create_directories(Local(""));
        control_ = vbscript::CreateScriptControl("VBScript");
        ASSERT_NE(control_, nullptr);
        ASSERT_TRUE(control_->AddObject("f", std::make_shared<corelib::FtpObject>()));
        ASSERT_TRUE(control_->AddObject("rt", std::make_shared<corelib::RuntimeObject>()));
        ASSERT_TRUE(control_->AddCode("Dim h\n"
                                      "Function ObEval(code)\n"
                                      "  ObEval = Eval(code)\n"
                                      "End Function\n"
                                      "Function ObRaised(code)\n"
                                      "  On Error Resume Next\n"
                                      "  ExecuteGlobal code\n"
                                      "  ObRaised = Err.Number\n"
                                      "End Function\n"))
            << control_->Error().description;
    }

    /// Starts the server; false (skip the test with Problem()) when it cannot run.
    bool StartServer() {
        server_ = std::make_unique<FtpTestServer>(
            FtpServerOptions{FtpServerKind::kPyftpdlib, Root(), "127.0.0.1", {}});
        return server_->Problem().empty();
    }
    std::string Problem() const { return server_->Problem(); }
    std::string Port() const { return std::to_string(server_->Port()); }

    /// The value of a VBScript expression, as text.
    std::string Eval(const std::string& expression) {
        vbscript::Variant value;
        if (!control_->Run("ObEval", {vbscript::Variant::String(expression)}, value)) {
            ADD_FAILURE() << expression << ": " << control_->Error().description;
            return "(error)";
        }
        return value.ToString();
    }
    /// The error number a statement raises (0: none).
    long Raised(const std::string& statement) {
        vbscript::Variant number;
        if (!control_->Run("ObRaised", {vbscript::Variant::String(statement)}, number)) {
            ADD_FAILURE() << statement << ": " << control_->Error().description;
            return -1;
        }
        return number.ToLong();
    }
    /// Runs a statement that must not raise.
    void Exec(const std::string& statement) { EXPECT_EQ(Raised(statement), 0) << statement; }

    /// An expression and the value it must have.
    struct Step {
        std::string expression;
        std::string value;
    };
    /// Evaluates the steps in order.
    void Expect(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            EXPECT_EQ(Eval(step.expression), step.value) << step.expression;
        }
    }
    /// A VBScript text literal of `text` (which holds no double quote).
    static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

    static std::string Var(const char* name) { return env::Get(name).value_or("(unset)"); }

    std::string Root() const { return dir_ / "root"; }
    std::string Local(const std::string& path) const { return dir_ / ("local/" + path); }
    const ScratchDir& Scratch() const { return dir_; }

private:
    ScratchDir dir_;
    std::unique_ptr<FtpTestServer> server_;
    std::unique_ptr<vbscript::ScriptControl> control_;
};

} // namespace ob::test
