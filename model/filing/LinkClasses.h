#pragma once
// The link bases that documents and the class table may name by tag.

// Enters TLink, TNamedLink and TSingleStyleLink in the class registry.
void RegisterLinkClasses();
