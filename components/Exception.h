#pragma once

#include <stdexcept>
#include <string>

// The one error type the components throw. It carries the message text that the
// application's error box shows to the user.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};
