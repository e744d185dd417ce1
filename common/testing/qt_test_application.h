#pragma once

// One Qt application object for a whole GoogleTest program: created before
// the first test, destroyed after the last.
//
//     [[maybe_unused]] auto* const kQt = pwtest::AddQtApplication<QApplication>("my_test");

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pwtest {

template <class Application>
class QtApplicationEnvironment : public ::testing::Environment {
public:
    // `beforeStart` runs just before the application is made (for example to
    // set environment variables that Qt reads then).
    explicit QtApplicationEnvironment(const char* name, std::function<void()> beforeStart = {})
        : name_(name), beforeStart_(std::move(beforeStart)) {}
    void SetUp() override {
        if (beforeStart_) {
            beforeStart_();
        }
        argv_[0] = const_cast<char*>(name_);
        app_ = std::make_unique<Application>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    const char* name_;
    std::function<void()> beforeStart_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<Application> app_;
};

template <class Application>
::testing::Environment* AddQtApplication(const char* name, std::function<void()> beforeStart = {}) {
    return ::testing::AddGlobalTestEnvironment(
        new QtApplicationEnvironment<Application>(name, std::move(beforeStart)));
}

}  // namespace pwtest
