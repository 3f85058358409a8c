// The entry of messkartbericht, the page's desk report (deskreport.hpp).
#include "deskreport.hpp"

int main(int argc, char** argv) { return messkart::deskReportRun(argc, argv); }
