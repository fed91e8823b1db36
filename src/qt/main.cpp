#include "qt/WizardApp.h"

int main(int argc, char** argv) { return quillon::qt::WizardApp::Main(argc, argv); }
