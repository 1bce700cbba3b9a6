// Raised by a validated setter after it has shown its message; carries nothing else.
#pragma once

#include <exception>

class SettingsException : public std::exception {
 public:
  const char* what() const noexcept override { return "setting out of range"; }
};
