#pragma once
// -silent=true: the installation without any window, for administrators and scripts. Each report
// is printed on standard output as "CODE VALUE TEXT"; refusals are explained on standard error.
// 0 when the installation succeeded, 1 otherwise.
int RunSilentInstall();
