#pragma once

#include <QString>

#include <string>
#include <string_view>

// Bytes become text only at the widget boundary: UTF-8 when they are valid UTF-8, otherwise read as
// Latin-1, so that no byte is lost on the way to the screen.
QString TextFromBytes(std::string_view bytes);
// What the user typed, as the bytes the configuration file and the network get (UTF-8).
std::string BytesFromText(const QString& text);
