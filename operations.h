// Every operation family, for the adapters that bind the member table to the
// operation functions (the vtx executor, the COM class). A new family adds
// its header here.
#pragma once

#include "adjust/adjust.h"
#include "draw/draw.h"
#include "effects/effects.h"
#include "filters/filters.h"
#include "session/image_session.h"
#include "transform/transform.h"
