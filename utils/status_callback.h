#pragma once
// The one report channel of the workers: (code, value, text). The text is valid only during the
// call; a receiver that keeps it must copy it. Reports arrive on the worker's thread.
#include <cstdint>
#include <functional>

using StatusCallback = std::function<void(std::int32_t code, double value, const wchar_t* text)>;
