// The fixture of the toolkit's tests: an application of their own (termination cannot be undone),
// the errors that reach its handler, and its loops run while a test waits.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ui/Application.h"

class TAppTest : public ::testing::Test {
protected:
    explicit TAppTest(const wchar_t* title) : title_(title) {}
    void SetUp() override {
        app.Initialize();
        app.SetTitle(title_);
        app.OnException = [this](TComponent* sender, const std::wstring& message) {
            reports.push_back({sender, message});
        };
    }
    void TearDown() override { app.DestroyForms(); }

    // Runs the loops until `done` holds or the time is up.
    template <class Pred>
    bool PumpUntil(Pred done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            app.ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return true;
    }
    void PumpFor(std::chrono::milliseconds span) {
        PumpUntil([] { return false; }, span);
    }

    struct TReport {
        TComponent* sender;
        std::wstring message;
    };
    TApplication app;
    std::vector<TReport> reports;

private:
    const wchar_t* title_;
};
