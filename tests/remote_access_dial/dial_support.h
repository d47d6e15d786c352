// A fresh simulated phone book, the status outputs in files, and one-second
// waits shortened to a few milliseconds, for in-process dial tests.
#pragma once

#include <string>

#include "tests/simulator/sim_support.h"

class DialTest : public SimulatorTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Dials the entry at a position with the three values; returns the result.
  int Dial(int index, const std::string& phone, const std::string& user,
           const std::string& password);
  // Closes the status outputs and returns what they hold.
  std::string ReportText();
  std::string IpcText();
  // Lines of the simulator's record of dials.
  std::string DialRecord();
  int ActiveConnections();
  // One-second waits the dial has made since SetUp.
  int SecondsWaited();

  std::string log_;
  std::string ipc_;
};
