#pragma once
// Where a request goes and its reply comes from: the serial port, or (in relay client mode)
// the relay socket. The transaction and the receive framer work only through this, so the
// relay client is one more implementation.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/basic_types.hpp"

namespace ecu {

class LinkChannel {
 public:
  virtual ~LinkChannel() = default;

  // Drops whatever waits just before the request is written; false when the line failed.
  // Called before every attempt; the serial channel first reopens a port lost to a line
  // error.
  virtual bool discard_stale_input() = 0;
  // Sends the 8-byte request frame; the relay also needs the whole reply length.
  virtual bool send_frame(std::string_view frame, Integer expected_reply_length) = 0;
  // Bytes ready for the framer; nullopt when the line failed.
  virtual std::optional<std::size_t> bytes_waiting() = 0;
  // One reply's input: everything waiting on the serial port, one datagram from the relay.
  // The framer records in `remote_server_answered` whether the relay sent more than a byte.
  virtual std::optional<std::string> take_input() = 0;
  // Blocks up to `seconds` or until new input arrives, whichever is first; true when input (or
  // a failure) is there to look at. A channel may come back at once while older input
  // waits; the transaction's waits then sleep in short steps instead.
  virtual bool wait_for_input(double seconds) = 0;
  // The bytes ready for the framer, without taking them, where the channel can show them
  // (nullopt otherwise): a wait that finds the reply among them ends at once.
  virtual std::optional<std::string> peek_input() { return std::nullopt; }
  // Whether what comes is one stream of bytes (the serial line), in which an answer may run
  // on from one attempt into the next; datagrams (the relay's) each stand alone.
  [[nodiscard]] virtual bool carries_byte_stream() const { return false; }
  // How long one attempt waits for its reply.
  [[nodiscard]] virtual double reply_timeout_seconds() const = 0;
  // Gives up the line after an error inside a transaction, so that the next open_comm_link
  // starts afresh.
  virtual void abandon() = 0;
};

// The channel of the current mode: the relay channel while `remote_server_ip` is set, the
// serial port otherwise.
LinkChannel& active_link_channel();

// The serial port's channel, whatever the mode (the relay server waits on it).
LinkChannel& serial_link_channel();

// The relay client installs its channel here (nullptr removes it). Without one, relay mode
// fails every attempt.
void set_relay_channel(LinkChannel* channel);

}  // namespace ecu
