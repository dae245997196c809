#pragma once
// Every world exports through one export handler offering meter data, drawings and movies. A
// world that has none (a new world, or a document written without one) gets one when an export
// first asks for it; a handler read from a document that lacks one of the three kinds gets it.

class TExportHandler;
class TWorldDoc;

// The world's export handler (its first object of the handler's class), made when missing.
TExportHandler& ExportHandlerFor(TWorldDoc& world);
