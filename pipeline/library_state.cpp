#include "pipeline/library_state.h"

namespace {

PipelineCounters g_counters;
GroupOutputBuffer g_outputBuffer;

}  // namespace

PipelineCounters& Counters() {
    return g_counters;
}

GroupOutputBuffer& OutputBuffer() {
    return g_outputBuffer;
}
