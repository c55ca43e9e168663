#include "pipeline/library_state.h"

PipelineCounters& Counters() {
    static PipelineCounters counters;
    return counters;
}

GroupOutputBuffer& OutputBuffer() {
    static GroupOutputBuffer outputBuffer;
    return outputBuffer;
}
