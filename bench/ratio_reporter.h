// A console reporter that also keeps each benchmark's time, so a program can
// print its figure beside its reference as a ratio from the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions a benchmark's median stands for it, whatever order
    // its runs were reported in.
    for (const Run& r : runs) {
      const std::string name = r.run_name.str();
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        times_[name] = r.GetAdjustedRealTime();
        medians_.insert(name);
      } else if (r.run_type == Run::RT_Iteration && !medians_.count(name)) {
        times_[name] = r.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? 0.0 : it->second;
  }

  // Prints "what: ours X, reference Y, ratio X/Y (goal)".
  void ratio(const char* what, const std::string& ours, const std::string& reference, const char* goal) const {
    const double a = time(ours), b = time(reference);
    std::printf("%-44s ours %10.1f ns  reference %10.1f ns  ratio %.2f  (goal %s)\n", what, a, b, b > 0 ? a / b : 0.0,
                goal);
  }

 private:
  std::map<std::string, double> times_;
  std::set<std::string> medians_;
};
