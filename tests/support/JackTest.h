#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/JackServer.h"

namespace testsupport {

// A test fixture with a JACK server of its own for the whole suite. Tests
// skip, saying why, where none can be started.
class JackTest : public testing::Test {
protected:
    static void SetUpTestSuite() { server_ = JackServer::start(whyNot_); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override
    {
        if (!server_) {
            GTEST_SKIP() << whyNot_;
        }
    }

private:
    static inline std::unique_ptr<JackServer> server_;
    static inline std::string whyNot_;
};

}  // namespace testsupport
