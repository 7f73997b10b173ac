# The merged inventory files, written on the control machine in one step:
# no module is sent anywhere, so merging costs no connection and no Python
# start-up on top of the sites' own work.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import stat
import tempfile

from ansible.errors import AnsibleActionFail
from ansible.plugins.action import ActionBase
from ansible_collections.zendrix.cameras.plugins.filter.csv_text import to_csv

COLUMNS = ['site', 'name', 'mac', 'ip', 'port', 'netmask', 'gateway', 'model', 'version', 'time_zone',
           'time_zone_row', 'ntp']
FILE_MODE = 0o644


def merged_cameras(cameras_by_site):
    """Every site's cameras in one list, sites in name order, each camera
    marked with its site."""
    merged = []
    for site in sorted(cameras_by_site):
        for camera in cameras_by_site[site]:
            entry = dict(camera)
            entry['site'] = site
            merged.append(entry)
    return merged


def write_if_changed(path, text, check_mode):
    """Writes text to path (replacing it at once, so a reader never sees half
    a file) unless the file already holds it with FILE_MODE; True when it
    was, or in check mode would be, written."""
    data = text.encode('utf-8')
    try:
        with open(path, 'rb') as current:
            same = current.read() == data
        same = same and stat.S_IMODE(os.stat(path).st_mode) == FILE_MODE
    except FileNotFoundError:
        same = False
    if same or check_mode:
        return not same
    folder = os.path.dirname(path) or '.'
    handle, scratch = tempfile.mkstemp(dir=folder, prefix='.' + os.path.basename(path) + '.')
    try:
        with os.fdopen(handle, 'wb') as out:
            out.write(data)
        os.chmod(scratch, FILE_MODE)
        os.replace(scratch, path)
    except BaseException:
        os.unlink(scratch)
        raise
    return True


class ActionModule(ActionBase):
    TRANSFERS_FILES = False

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        _, args = self.validate_argument_spec(argument_spec=dict(
            sites=dict(type='list', elements='str', required=True),
            dest=dict(type='path', required=True),
            columns=dict(type='list', elements='str', default=COLUMNS),
        ))
        folder = os.path.dirname(args['dest']) or '.'
        if not os.path.isdir(folder):
            raise AnsibleActionFail('the folder of %s does not exist' % args['dest'])
        # The facts are read here rather than templated into the arguments:
        # a template of every site's cameras costs more than the rest of the merge.
        hostvars = task_vars['hostvars']
        cameras_by_site = {}
        for site in args['sites']:
            cameras = hostvars[site].get('zendrix_cameras') if site in hostvars else None
            if not isinstance(cameras, list):
                raise AnsibleActionFail('site %s has no cameras read (zendrix_cameras): run camera_facts first' % site)
            cameras_by_site[site] = cameras
        merged = merged_cameras(cameras_by_site)
        files = {
            args['dest'] + '.json': json.dumps(merged, indent=4, sort_keys=True, separators=(',', ': ')) + '\n',
            args['dest'] + '.csv': to_csv(merged, args['columns']),
        }
        written = [path for path, text in sorted(files.items())
                   if write_if_changed(path, text, self._task.check_mode)]
        result.update(changed=bool(written), written=written, cameras=len(merged))
        return result
