// The studyhost runtime in one include.
#pragma once

#include "studyhost/lib/bar_lookup.h"
#include "studyhost/lib/call_observer.h"
#include "studyhost/lib/chart.h"
#include "studyhost/lib/drawing_store.h"
#include "studyhost/lib/host.h"
#include "studyhost/lib/host_constants.h"
#include "studyhost/lib/library_loader.h"
#include "studyhost/lib/menu.h"
#include "studyhost/lib/redact.h"
#include "studyhost/lib/scripted_transport.h"
#include "studyhost/lib/study_instance.h"
#include "studyhost/lib/transport.h"
#include "studyhost/lib/value_text.h"
