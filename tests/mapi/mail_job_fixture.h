// Fixture for the -mail service: a session whose jobs run on the test thread (the
// host directives' fixture), the sendmail stand-in, and calls of the service
// through its entry point with any Simple MAPI library.
#pragma once

#include "engine/services/mail/mail_service.h"
#include "host_fixture.h"
#include "mail_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ob::test {

class MailJobTest : public HostDirectiveTest {
protected:
    void SetUp() override {
        HostDirectiveTest::SetUp();
        sendmail_ = std::make_unique<FakeSendmailSetup>(Scratch());
        env::Set("JR.LAST_ERROR", "before");
    }

    /// Calls the service with "-mail" and `words`, loading `library`.
    static std::int32_t Mail(const std::vector<std::string>& words,
                             const char* library = engine::kMapiLibrary) {
        std::vector<const char*> array{"-mail"};
        for (const std::string& word : words) {
            array.push_back(word.c_str());
        }
        array.push_back(nullptr);
        return engine::MailServiceWith(array.data(), library);
    }

    /// Loads a one-job script whose actions are `actions` (one per line), with
    /// failures continuing, and runs it.
    engine::RunResult RunActions(const std::vector<std::string>& actions) {
        const std::string name = "mailer" + std::to_string(++jobs_);
        std::string text = "{\n\t-name " + name + "\n\t-action -onerror continue\n";
        for (const std::string& action : actions) {
            text += "\t-action " + action + "\n";
        }
        text += "}\n";
        if (!LoadScript(name + ".jr", text)) {
            ADD_FAILURE() << "script did not load";
            return engine::RunResult::Abort;
        }
        return Run(name);
    }

    static std::string LastError() { return env::Get("JR.LAST_ERROR").value_or("(unset)"); }

    std::unique_ptr<FakeSendmailSetup> sendmail_;

private:
    int jobs_ = 0;
};

} // namespace ob::test
