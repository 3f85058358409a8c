// The program's entry; its run, from banner to exit code, is in main.cpp.
#include "main.hpp"

int main(int argc, char** argv) { return glattzug::run(argc, argv); }
