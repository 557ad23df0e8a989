#pragma once
// Chinese names and descriptions of the S.M.A.R.T. attribute numbers, in
// the system code page. A number not in the table gives "未知属性" from both.
#include <cstdint>
#include <string>

namespace tarnwell::health {

const std::string& GetAttributeName(uint8_t id);
const std::string& GetAttributeDescription(uint8_t id);
// True for the 47 numbers the table names.
bool IsKnownAttribute(uint8_t id);

}  // namespace tarnwell::health
