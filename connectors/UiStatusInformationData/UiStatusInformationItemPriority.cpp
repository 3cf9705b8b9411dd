#include "UiStatusInformationItemPriority.h"

UiStatusInformationItemPriority::~UiStatusInformationItemPriority()
{
}
