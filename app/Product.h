// What this setup program installs.
#pragma once

#define TOLVA_PRODUCT_NAME "TOLVA Mail Server"
#define TOLVA_VERSION "2.10.282"
#define TOLVA_EDITION " Pro"
