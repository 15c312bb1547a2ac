// Reading a run's traces and reports: the texts the program sends, texts in order,
// placeholders, and the lines of a tool's report.
#pragma once

#include <string>
#include <vector>

// The text with every from replaced by to.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// True when trace is expected, or, for an expected text ending in "*", starts with what
// comes before the "*".
bool Matches(const std::string& trace, const std::string& expected);

// The first expected text that does not follow the ones before it in traces (other texts
// between them allowed); empty when all do.
std::string FirstMissingInOrder(const std::vector<std::string>& traces,
                                const std::vector<std::string>& expected);

// True when one of traces matches text.
bool Contains(const std::vector<std::string>& traces, const std::string& text);

// The texts of a run for people: GBK turned into UTF-8, one text a line.
std::string Describe(const std::vector<std::string>& traces);

// How many lines of text start with start.
int CountLines(const std::string& text, const std::string& start);

// What follows the label's padding on the first line that starts with the label, as
// setupcheck prints its findings; empty when no line does.
std::string ReportValue(const std::string& report, const std::string& label);

// One "|name=value" field of a fakeprog log line, "<missing>" when it has none; the command
// line comes first and may hold anything, so fields are looked for from the end.
std::string LogField(const std::string& line, const std::string& name);

// Trace texts that the program sends, formed as it forms them.
std::string TraceStartRun(const std::string& command);
std::string TraceRunEnded(const std::string& command, int exitCode);
std::string TraceRunTimedOut(const std::string& command);
std::string TraceCopyStart(const std::string& source, const std::string& dest);
std::string TraceCopyEnd(const std::string& source, const std::string& dest, int result);
