// The rotation model that the tool's own tests keep, compiled here once more
// to judge the outputs of hostile files.
#include "../kippdreh/reference_rotation.cpp"
