// The system's own wording of a failure code, for error messages a person
// can act on. Windows-only.
#pragma once

#include <cstdint>
#include <string>

// "Access is denied (error 5)".
std::string Win32ErrorText(uint32_t code);

// "The system cannot find the path specified (0x80070003)"; just the code
// when the system has no text for it.
std::string HresultText(int32_t hr);
