#include "link/comm_port.hpp"

#include "model/shared_state.hpp"

namespace ecu {
namespace {

struct PortHolder {
  std::function<std::unique_ptr<SerialPort>()> factory;
  std::unique_ptr<SerialPort> port;
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
  link_ready = kFalse;
}

void set_serial_port_factory(std::function<std::unique_ptr<SerialPort>()> factory) {
  auto& state = holder();
  if (state.port) state.port->close();
  state.port.reset();
  state.factory = std::move(factory);
}

}  // namespace ecu
