#pragma once
// The Remote Setup menu of the main window: start the relay, start and halt the relay
// client.

namespace ecu {

void start_relay_server();
void start_relay_client();
void halt_relay_client();

}  // namespace ecu
