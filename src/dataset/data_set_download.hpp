#pragma once
// The data set download: the whole calibration read from the controller into a data set
// file chosen by the user. Every reply is checked against its request; the file is written
// under a temporary name and takes the chosen name only once its last line is written, so
// a run that stops never leaves a half file behind nor destroys the user's previous one.

namespace ecu {

// The File menu's "&Dowload ECU To Calibration File".
void download_data_set();

}  // namespace ecu
