#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/Headless.h"

// A misuse of the toolkit or a pop-up nobody expected ends the test at once.
struct HeadlessFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Installs a fresh headless toolkit whose failures throw HeadlessFailure.
HeadlessBackend& FreshHeadlessToolkit();

// The program started on the headless toolkit, main panel shown, as after
// start-up. Every queued pop-up answer must have been used by the end.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs start-up again with these arguments (after the program name).
    int Start(const std::vector<std::string>& args = {});

    static int Int(int panel, int control);
    static double Real(int panel, int control);
    static std::string Text(int panel, int control);
    static std::vector<std::string> Items(int panel, int control);
    static int Attribute(int panel, int control, int attribute);
    static std::string Label(int panel, int control);
    static std::string Title(int panel);
    static bool MenuDimmed(int panel, int item);

    HeadlessBackend* ui = nullptr;
};
