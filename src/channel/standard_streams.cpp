#include "channel/standard_streams.h"

#include "platform/standard_handles.h"

TStreamPair OpenStandardStreams() {
  return {platform::OpenStandardInput(), platform::OpenStandardOutput()};
}
