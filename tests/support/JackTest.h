#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/JackServer.h"

namespace testsupport {

// A test fixture with a JACK server of its own, started before the first
// test that needs it and kept for the rest of the test program (libjack
// keeps one set of globals per process: clients made for one server must
// not meet a second one). Tests skip, saying why, where none can start.
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
    // Stopped when the program ends, after the tests' own clients.
    static inline std::unique_ptr<JackServer> server_;
    static inline std::string whyNot_;
};

}  // namespace testsupport
