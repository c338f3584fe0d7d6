#pragma once

// The capture layer's utilities, for the main window to include at once: device enumeration,
// media types, persisted monikers, result checking, graph registration, filter and pin lists.
#include "capture/BaseFilter.h"
#include "capture/DeviceEntry.h"
#include "capture/DirectShowErrors.h"
#include "capture/FilterList.h"
#include "capture/GraphMember.h"
#include "capture/GraphRegistration.h"
#include "capture/MediaType.h"
#include "capture/PersistentMemory.h"
#include "capture/PinList.h"
#include "capture/SysDevEnum.h"
