#include "VirtualCard.h"

using namespace tessarovin;


void VirtualCard::reset()
{
}
