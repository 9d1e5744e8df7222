#pragma once
// What every ByteLink (src/rig/byte_link.h) must do, checked on each platform's link against a
// listening socket of that platform standing in for rigctld. `Listener` offers Port(), Stop(),
// Accept() (true once a peer is there), ClosePeer(), SendToPeer(bytes) and ReceiveFromPeer().

#include <gtest/gtest.h>

#include <string>

#include "rig/byte_link.h"

namespace keblor::test {

// Bytes go both ways until the server closes, which ends the link.
template <class Link, class Listener>
void CheckCarriesBytesUntilTheServerCloses() {
  Listener server;
  Link link;
  ASSERT_TRUE(link.Open("127.0.0.1", server.Port()).Ok());
  ASSERT_TRUE(server.Accept());
  ASSERT_TRUE(link.Send("+f\n").Ok());
  EXPECT_EQ(server.ReceiveFromPeer(), "+f\n");
  server.SendToPeer("RPRT 0\n");
  std::string bytes = "x";
  ASSERT_TRUE(link.Receive(bytes).Ok());
  EXPECT_EQ(bytes, "xRPRT 0\n");

  server.ClosePeer();
  const Status status = link.Receive(bytes);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "the connection was closed");
}

// A server that takes the connection and says nothing: the wait ends at the link's reply
// timeout, with nothing received.
template <class Link, class Listener>
void CheckASilentServerTimesOut() {
  Listener server;
  Link link(1000, 300);
  ASSERT_TRUE(link.Open("localhost", server.Port()).Ok());
  ASSERT_TRUE(server.Accept());
  std::string bytes;
  const Status status = link.Receive(bytes);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "no answer within 300 ms");
  EXPECT_TRUE(bytes.empty());
}

template <class Link, class Listener>
void CheckRefusedWithoutAServer() {
  Listener server;
  const int port = server.Port();
  server.Stop();
  Link link;
  const Status status = link.Open("127.0.0.1", port);
  EXPECT_EQ(status.kind, Status::Kind::Lost);
  EXPECT_EQ(status.reason, "connection refused");
  EXPECT_EQ(link.Send("+f\n").reason, "not connected");
}

}  // namespace keblor::test
