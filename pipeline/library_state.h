#pragma once

#include "pipeline/group_output_buffer.h"
#include "pipeline/pipeline_counters.h"

// State of the plug-in as a whole, zero when the library is loaded and shared by the intake,
// the send timer and the statistics. Only the GUI thread touches it. Made at first use, it
// lives until everything made after it is destroyed.
PipelineCounters& Counters();
GroupOutputBuffer& OutputBuffer();
