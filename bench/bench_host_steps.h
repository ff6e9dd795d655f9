// The host's own steps for one request and one reply, as the channel runs
// them, so that the benchmarks measure the real path and not a shortcut.
#pragma once

#include <string>
#include <string_view>

namespace bench {

// Raw request bytes -> thread ANSI text -> ParseJson -> "param1" of
// "parametry", decoded as the channel decodes every parameter.
std::u16string HostRequestParam1(std::string_view body);

// The reply to a SIGNDETACHED with data (no error, tab 12), serialised as
// compact fully escaped JSON and turned into the wire's narrow text.
std::string HostReplyText(std::u16string_view data);

}  // namespace bench
