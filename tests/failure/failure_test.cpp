// The text of the failure report: class name, module, code position, message.
#include "failure.hpp"

#include <gtest/gtest.h>

namespace {

TEST(FailureReport, NamesClassModuleAndMessage) {
    EXPECT_EQ(failureReportText({FailureKind::ReadBeyondEnd, 0, 0x0041A2F0u}, "kippdreh"),
              "Exception EInOutError in module kippdreh at 0041A2F0.\nRead beyond end of file.\r\n");
    EXPECT_EQ(failureReportText({FailureKind::OtherIo, 5, 0x00400010u}, "glattzug"),
              "Exception EInOutError in module glattzug at 00400010.\nI/O error 5.\r\n");
    EXPECT_EQ(failureReportText({FailureKind::FpOverflow, 0, 0x00400020u}, "messkart"),
              "Exception EOverflow in module messkart at 00400020.\nFloating point overflow.\r\n");
    EXPECT_EQ(failureReportText({FailureKind::OutOfMemory, 0, 0x00400000u}, "messkart"),
              "Exception EOutOfMemory in module messkart at 00400000.\nOut of memory.\r\n");
}

} // namespace
