#pragma once

// Every part of the program registers what it adds to the catalogue and the main window: schema
// steps, find words, Collection menu items, quick-info sections. The program, its tools and the
// tests call this once before anything opens a catalogue; later calls do nothing.
void RegisterFeatures();
