#include "ServerRequestorManager.h"

using namespace tessarovin;


ServerRequestorManager::~ServerRequestorManager() = default;
