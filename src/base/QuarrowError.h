#pragma once

#include <stdexcept>
#include <string>

// The one exception type whose message is meant for the user. Commands let it through to the
// application's handler of unexpected errors, which shows the message in a message box.
class TQuarrowError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
