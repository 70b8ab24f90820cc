// The join code: random letters and digits a person can read out and type.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace torvelkan::net {

inline constexpr std::size_t kJoinCodeLength = 8;

// A code from random bytes (the system's secure source): eight characters of
// 31, with no 0/o, 1/l or i to mix up, about 40 bits. Bytes that would favour
// some characters are passed over; an empty string if too few bytes were left.
std::string MakeJoinCode(std::span<const std::uint8_t> randomBytes);

// A fresh code from the system's secure random source; throws
// std::runtime_error if there is none.
std::string NewJoinCode();

// Compares in time that does not depend on where they differ.
bool SameCode(std::string_view a, std::string_view b);

}  // namespace torvelkan::net
