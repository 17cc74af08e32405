// The studyhost runtime in one include.
#pragma once

#include "studyhost/runtime/bar_lookup.h"
#include "studyhost/runtime/call_observer.h"
#include "studyhost/runtime/chart.h"
#include "studyhost/runtime/drawing_store.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/host_constants.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/menu.h"
#include "studyhost/runtime/redact.h"
#include "studyhost/runtime/scripted_transport.h"
#include "studyhost/runtime/study_instance.h"
#include "studyhost/runtime/transport.h"
#include "studyhost/runtime/value_text.h"
