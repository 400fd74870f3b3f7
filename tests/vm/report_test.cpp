// The probe report, byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support.h"
#include "vm/vm_kinds.h"
#include "vm/vm_table.h"

using test_support::ScratchDir;

namespace {

// The report of table as it reaches a file through a text-mode stream.
std::string ReportOf(VmTable& table)
{
    ScratchDir dir("report");
    std::string path = dir / "report.txt";
    FILE* file = fopen(path.c_str(), "w");
    table.PrintReport(file);
    fclose(file);
    test_support::Bytes bytes = test_support::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void Found(VmTable& table, int slot, const char* path, int suitable)
{
    strcpy(table.slots[slot]->exePath, path);
    table.slots[slot]->suitable = suitable;
}

TEST(PrintReport, NothingFoundIsTheSingleLineZero)
{
    VmTable table;
    table.CreateKinds();
    EXPECT_EQ("0\r\n", ReportOf(table));
    VmTable empty;
    EXPECT_EQ("0\r\n", ReportOf(empty));
}

TEST(PrintReport, FoundKindsInSlotOrderSuitableOrNot)
{
    VmTable table;
    table.CreateKinds();
    Found(table, 0, "C:\\jdk\\bin\\java.exe", 1);
    Found(table, 1, "C:\\jre\\bin\\jre.exe", 1);
    Found(table, 2, "C:\\windows\\jview.exe", 0);
    EXPECT_EQ("3\r\nYES C:\\jdk\\bin\\java.exe\r\nYES C:\\jre\\bin\\jre.exe\r\nNO C:\\windows\\jview.exe\r\n",
              ReportOf(table));
}

TEST(PrintReport, OnlyTheMicrosoftVmFoundAndNotSuitable)
{
    VmTable table;
    table.CreateKinds();
    Found(table, 2, "C:\\windows\\jview.exe", 0);
    EXPECT_EQ("1\r\nNO C:\\windows\\jview.exe\r\n", ReportOf(table));
}

TEST(PrintReport, EmptySlotsAreNeitherCountedNorListed)
{
    VmTable table;
    table.CreateKinds();
    Found(table, 1, "C:\\jre\\bin\\java.exe", 1);
    delete table.slots[0];
    table.slots[0] = nullptr;
    EXPECT_EQ("1\r\nYES C:\\jre\\bin\\java.exe\r\n", ReportOf(table));
}

}  // namespace
