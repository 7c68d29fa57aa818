#pragma once

class QLayout;

// Takes every item out of the layout and deletes it, a managed widget with
// all its children first; nested layouts are deleted as items, their
// contents not visited. A null layout is left alone.
void clear_layout(QLayout* layout);
