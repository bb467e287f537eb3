#include "udp_link.h"

void receiveDatagrams() {}
