// The program's entry; its run, from banner to exit code, is in main.cpp.
#include "exportrun.hpp"

int main(int argc, char** argv) { return passnetz::run(argc, argv); }
