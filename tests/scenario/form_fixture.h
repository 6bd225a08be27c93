// Form1 wired to a fake window, for tests that drive it event by event.
#pragma once

#include "app/form1.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

namespace kelvo::testing {

// The window created but not loaded: for tests of the load step itself.
class NewFormTest : public ::testing::Test {
protected:
    fake::FakeForm fake;
    Form1 form{fake.controls()};
};

// The window after a successful load step, as the user first sees it.
class LoadedFormTest : public NewFormTest {
protected:
    void SetUp() override { form.Form_Load(); }
};

} // namespace kelvo::testing
