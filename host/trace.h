// Trace points of a start, in benchmark builds alone: compiled in where PANEL_TRACE_POINTS
// is defined (bench/CMakeLists.txt's traced_panel sets it; the release never does), and
// nothing at all elsewhere. Each point notes the performance counter at a named moment of
// the start; when the program ends, the points go to the file that the environment
// variable PANEL_TRACE_FILE names, one "counter name" line each, for the start driver
// (bench/start_driver.cpp --timeline) to lay beside what it sees from outside. Under Wine
// the performance counter of every process counts from the same origin.
// No test: it is in benchmark builds alone; scripts/bench.sh --timeline reads the points,
// and fails when a start wrote none.
#pragma once

#ifdef PANEL_TRACE_POINTS
// Notes the moment; a name given again is noted again. `name` is a literal.
void TracePoint(const char* name);
// Writes the noted moments to PANEL_TRACE_FILE, if the environment names one.
void WriteTracePoints();
#define PANEL_TRACE(name) TracePoint(name)
#define PANEL_TRACE_WRITE() WriteTracePoints()
#else
#define PANEL_TRACE(name) ((void)0)
#define PANEL_TRACE_WRITE() ((void)0)
#endif
