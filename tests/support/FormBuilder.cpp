// Placeholder until the form builder lands.
