#pragma once
// What the simulated controller answers, unless a test scripts otherwise, for the replies
// laid out in controller_replies.hpp: a steady idle engine and a fixed identity.

#include <cstdint>
#include <map>
#include <string>

namespace sim {

// Payload by reply type for the fixed-layout replies.
std::map<std::uint8_t, std::string> default_reply_payloads();

// Page `page` of a crank-wheel capture whose sample k reads k.
std::string wheel_page_reply_payload(unsigned page);

}  // namespace sim
