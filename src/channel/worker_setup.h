// What the program entry gives the worker before the main form starts it: the
// bound signing library, the traffic log switch and the block length. Set once on the main
// thread before any worker exists; read-only afterwards.
#pragma once

#include <cstdint>
#include <string>

struct TTavrinFunctions;

struct TWorkerSetup {
  // The signing library's functions; null until the entry has bound them, in
  // which case every library method is answered as a failed handler.
  const TTavrinFunctions* Tavrin = nullptr;
  // The traffic log, switched on only in a build made for debugging an
  // extension; LogFileName is where the whole log is saved after each line.
  bool LogEnabled = false;
  std::string LogFileName;
  // Reply data longer than this many UTF-16 units goes out in blocks.
  std::int32_t BlockLength = 450000;
};

extern TWorkerSetup WorkerSetup;
