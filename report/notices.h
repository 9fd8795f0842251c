// The console texts of the notices that the steps return (model/notices.h):
// the reports of the interpolation package, of the zero-time estimate of the
// tail and of the incomplete beta function, each with its wait for Enter.
#pragma once

#include "core/console.h"
#include "model/notices.h"

namespace kaldero {

void writeNotice(Console& console, const Notice& notice);
void writeNotices(Console& console, const Notices& notices);

}  // namespace kaldero
