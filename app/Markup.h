#pragma once
// Placeholder; the settings document lands here.
class CXmlDocument {};
