#include "link/comm_port.hpp"

#include "model/shared_state.hpp"

namespace ecu {
namespace {

struct PortHolder {
  std::function<std::unique_ptr<SerialPort>()> factory;
  std::unique_ptr<SerialPort> port;
  bool lost = false;
};

PortHolder& holder() {
  static PortHolder instance;
  return instance;
}

}  // namespace

SerialPort& comm_port() {
  auto& state = holder();
  if (!state.port) state.port = state.factory ? state.factory() : make_system_serial_port();
  return *state.port;
}

void close_comm_port() {
  auto& state = holder();
  if (state.port) state.port->close();
  state.lost = false;
  link_ready = kFalse;
}

void give_up_lost_comm_port() {
  close_comm_port();
  holder().lost = true;
}

bool comm_port_lost() {
  return holder().lost;
}

void set_comm_port_lost(bool lost) {
  holder().lost = lost;
}

void set_serial_port_factory(std::function<std::unique_ptr<SerialPort>()> factory) {
  auto& state = holder();
  if (state.port) state.port->close();
  state.port.reset();
  state.lost = false;
  state.factory = std::move(factory);
}

}  // namespace ecu
