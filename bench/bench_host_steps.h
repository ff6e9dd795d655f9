// The host's own steps for one request and one reply, called as the channel
// calls them, so that the benchmarks measure the real path and not a shortcut.
#pragma once

#include <string>
#include <string_view>

namespace bench {

// Request intake of the raw bytes: "param1" of "parametry", decoded as the
// channel decodes every parameter.
std::u16string HostRequestParam1(std::string_view body);

// The body of the reply to a SIGNDETACHED (no error, tab 12) whose data is
// one block of data: the reply envelope as the host makes it.
std::string HostReplyText(std::u16string_view data);

// How much of data one reply carries (a block of non-ASCII text is cut
// before 1 MiB of escapes), so that the peers write the same reply.
std::u16string_view HostReplyData(std::u16string_view data);

}  // namespace bench
