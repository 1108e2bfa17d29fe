// pendiente
