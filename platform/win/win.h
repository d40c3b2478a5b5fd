// Everything of the layer: handles, events and waits, threads, messages, key
// state and cursor, clock, and the application object.
#pragma once

#include "platform/win/application.h"
#include "platform/win/clock.h"
#include "platform/win/handles.h"
#include "platform/win/input.h"
#include "platform/win/messages.h"
#include "platform/win/sync.h"
#include "platform/win/threads.h"
