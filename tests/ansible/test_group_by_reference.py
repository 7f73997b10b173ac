"""The grouping of camera_settings: one set per group must give every camera
what it would get alone, since a set starts from the first camera it reads."""
import importlib.util
import sys
import unittest

spec = importlib.util.spec_from_file_location('zendrix', sys.argv.pop(1))
zendrix = importlib.util.module_from_spec(spec)
spec.loader.exec_module(zendrix)


def camera(mac, model='VT-C6121', changes=None, **current):
    values = dict(time_zone_row='100', ntp='pool.ntp.org', date='2026/12/07', time='10:00:00', name=mac)
    values.update(current)
    return dict(mac=mac, model=model, current=values,
                changes=[dict(field='ntp', current='pool.ntp.org', desired='ntp.lab')] if changes is None else changes)


class GroupByReference(unittest.TestCase):
    def test_cameras_alike_but_for_clock_and_name_share_one_set(self):
        plan = [camera('A', time='10:00:01'), camera('B', time='10:00:02')]
        self.assertEqual(zendrix.group_by_reference(plan), [['A', 'B']])

    def test_a_differing_setting_or_model_or_change_splits(self):
        plan = [camera('A'), camera('B', daylight='on'), camera('C', model='VT-C6121A'),
                camera('D', changes=[dict(field='ntp', current='other', desired='ntp.lab')])]
        self.assertEqual(zendrix.group_by_reference(plan), [['A'], ['B'], ['C'], ['D']])

    def test_cameras_without_changes_are_left_out(self):
        self.assertEqual(zendrix.group_by_reference([camera('A', changes=[]), camera('B')]), [['B']])


if __name__ == '__main__':
    unittest.main()
