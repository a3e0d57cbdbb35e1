#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/JackServer.h"

namespace testsupport {

// A fixture with a JACK server of its own, started for the first test that needs it and kept for
// the rest of the program (libjack keeps one set of globals per process: clients made for one
// server must not meet a second). Tests skip, saying why, where none can start.
class JackTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!server_ && whyNot_.empty()) {
            server_ = JackServer::start(whyNot_);
        }
    }
    void SetUp() override
    {
        if (!server_) {
            GTEST_SKIP() << whyNot_;
        }
    }

private:
    static inline std::unique_ptr<JackServer> server_;  // stopped after the tests' clients
    static inline std::string whyNot_;
};

}  // namespace testsupport
