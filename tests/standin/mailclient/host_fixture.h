#pragma once
// A stand-in host in the test's own process, with a scratch mailbox.

#include <gtest/gtest.h>

#include <memory>

#include "interfaces/mail_client.h"
#include "standin/mailclient/host.h"
#include "tests/standin/mailclient/test_support.h"

class HostFixture : public ::testing::Test {
protected:
    void SetUpHost(const std::string& name) {
        dir = mctest::ScratchDir(name);
        orv::mailclient::UserSetup user;
        user.userName = "alice";
        user.mailboxDir = dir + "mail\\";
        user.programDir = mctest::BinDir();
        user.fromAddress = "alice@home.example";
        user.identities.push_back({"Work", "alice@work.example", "boss@work.example"});
        CreateDirectoryA(user.mailboxDir.c_str(), nullptr);
        host = std::make_unique<orv::mailclient::Host>(user);
        host->onLog = [this](const std::string& line) { log.push_back(line); };
        ASSERT_TRUE(host->Create(true));
        formHost = host->NewFormHost("Form host");
        ASSERT_NE(formHost, nullptr);
    }
    void TearDown() override {
        host.reset();
        mctest::PumpFor(20);
    }
    LRESULT Ask(UINT msg, WPARAM wp, LPARAM lp) { return SendMessageA(formHost, msg, wp, lp); }

    std::string dir;
    std::unique_ptr<orv::mailclient::Host> host;
    HWND formHost = nullptr;
    std::vector<std::string> log;
};
