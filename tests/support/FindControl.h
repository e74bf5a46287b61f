#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

// A window's control found by its object name, as scripts find it; a missing one fails the test.
template <typename TControl> TControl* Control(const QObject& window, const char* name)
{
    auto* control = window.findChild<TControl*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}
