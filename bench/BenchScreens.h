#pragma once

class TFiscal;

// The sale screen, shown, as the program builds it; made by main beside the logs screen.
extern TFiscal* saleScreen;
