#include "json/writer/json_writer_sock.h"

#include "json/value/jsonvalue.h"

#include <gtest/gtest.h>

#if __has_include(<sys/socket.h>)
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace {

// A connected pair of stream sockets, closed on every way out.
struct TSocketPair {
  int Fds[2] = {-1, -1};
  TSocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, Fds), 0); }
  ~TSocketPair() {
    for (int fd : Fds)
      if (fd >= 0) ::close(fd);
  }
  void Close(int side) {
    ::close(Fds[side]);
    Fds[side] = -1;
  }
  std::string ReadAll(int side) {
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(Fds[side], buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
    return bytes;
  }
};

TEST(JsonWriterSock, SendsLowBytesAndCountsThem) {
  TSocketPair pair;
  std::u16string big(300000, u'z');  // more than the socket buffer takes at once
  std::string received;
  std::thread reader([&] { received = pair.ReadAll(1); });
  {
    TJsonWriterSock sink(pair.Fds[0]);
    EXPECT_EQ(sink.Append(u"["), 1);
    EXPECT_EQ(sink.Append(big), 300000);
    EXPECT_EQ(sink.AppendText(u"]"), 1);
    EXPECT_EQ(sink.SentBytes(), 300002);
    sink.ResetOutput();
    EXPECT_EQ(sink.SentBytes(), 0);
  }
  pair.Close(0);
  reader.join();
  EXPECT_EQ(received, "[" + std::string(300000, 'z') + "]");
}

TEST(JsonWriterSock, AGonePeerFailsTheSinkWithoutEndingTheProcess) {
  TSocketPair pair;
  pair.Close(1);
  TJsonWriterSock sink(pair.Fds[0]);
  EXPECT_EQ(sink.Append(u"{}"), -1);
  EXPECT_EQ(sink.Append(u"{}"), -1);
  EXPECT_EQ(sink.SentBytes(), 0);
}

TEST(JsonWriterSock, WriteToSocketSendsTheEscapedText) {
  TSocketPair pair;
  IJsonValue object = TJsonValue::Create(skObject);
  object->PutText(u"e", u"\u00e9");
  EXPECT_EQ(object->WriteToSocket(pair.Fds[0], false, true), 14);
  pair.Close(0);
  EXPECT_EQ(pair.ReadAll(1), "{\"e\":\"\\u00e9\"}");

  TSocketPair gone;
  gone.Close(1);
  EXPECT_EQ(object->WriteToSocket(gone.Fds[0], false, true), 0);
}

}  // namespace
#endif
