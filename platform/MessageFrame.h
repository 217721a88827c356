#pragma once
// The bytes of one message between two processes (internal to the message windows; tests
// use it to forge frames). All numbers little-endian.
//
// Request, sender to receiver, on a fresh connection to the receiver's socket:
//   u32 magic "DPXW", u32 version 1, u32 target handle, u32 sender handle, u32 code,
//   u32 block length, then the block.
// Reply, receiver to sender, after the handler ran:
//   u32 magic "DPXR", u32 status (0 handled, 1 no such window), i64 handler result.

#include <QByteArray>
#include <cstdint>

namespace platform::frame {

inline constexpr std::uint32_t kRequestMagic = 0x57585044; // "DPXW"
inline constexpr std::uint32_t kReplyMagic = 0x52585044;   // "DPXR"
inline constexpr std::uint32_t kVersion = 1;
inline constexpr int kHeaderSize = 24;
inline constexpr int kReplySize = 16;
// The largest block accepted; a message is a copy in memory on both sides.
inline constexpr std::uint32_t kMaxBlock = 256u * 1024u * 1024u;

inline constexpr std::uint32_t kStatusHandled = 0;
inline constexpr std::uint32_t kStatusNoWindow = 1;

struct Header {
  std::uint32_t target = 0;
  std::uint32_t sender = 0;
  std::uint32_t code = 0;
  std::uint32_t length = 0;
};

QByteArray encodeRequest(const Header &header, const QByteArray &block);

// Decodes the first kHeaderSize bytes. False when they are not a request header of this
// version or announce a block larger than kMaxBlock.
bool decodeHeader(const char *bytes, Header &out);

QByteArray encodeReply(std::uint32_t status, std::int64_t result);

// Decodes kReplySize bytes. False when they are not a reply or carry an unknown status.
bool decodeReply(const char *bytes, std::uint32_t &status, std::int64_t &result);

} // namespace platform::frame
