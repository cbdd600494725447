#pragma once
// Everything a window of the console is built from.

#include "ui/clock.hpp"
#include "ui/colour.hpp"
#include "ui/control.hpp"
#include "ui/event_loop.hpp"
#include "ui/form.hpp"
#include "ui/gauge.hpp"
#include "ui/grid.hpp"
#include "ui/menu.hpp"
#include "ui/picture_box.hpp"
#include "ui/presenter.hpp"
#include "ui/strip_chart.hpp"
#include "ui/timer.hpp"
